#include "platform/tools/midl/type_library_builder.h"

namespace midl {

using namespace platform::typelib;

namespace {

class Builder {
  public:
    explicit Builder(const IdlFile& file) : file_(file) {
        for (size_t index = 0; index < file.declarations.size(); ++index) {
            const Declaration& declaration = file.declarations[index];
            if (declaration.kind == Declaration::Kind::Enum ||
                declaration.kind == Declaration::Kind::Interface ||
                declaration.kind == Declaration::Kind::DispInterface ||
                declaration.kind == Declaration::Kind::CoClass)
                byName_[declaration.type.name] = index;
        }
    }

    TypeLibrary Build() {
        if (!file_.library) throw std::runtime_error("the file declares no library");
        library_ = *file_.library;
        library_.types.clear();
        // `interface IFoo;` inside the library puts an interface declared outside it into the library.
        for (const Declaration& declaration : file_.declarations) {
            if (!declaration.inLibrary || declaration.imported) continue;
            const std::string& name =
                declaration.kind == Declaration::Kind::Forward ? declaration.text : declaration.type.name;
            if (byName_.count(name)) Include(name);
        }
        return std::move(library_);
    }

  private:
    std::uint32_t Include(const std::string& name) {
        auto known = indexes_.find(name);
        if (known != indexes_.end()) return known->second;
        auto index = static_cast<std::uint32_t>(library_.types.size());
        indexes_[name] = index;
        TypeDefinition type = file_.declarations[byName_.at(name)].type;
        library_.types.emplace_back();
        if (type.base) type.base = Resolve(*type.base);
        for (ImplementedInterface& implemented : type.implemented)
            implemented.interface = Resolve(implemented.interface);
        for (Function& function : type.functions) {
            ResolveType(function.returnType);
            for (Parameter& parameter : function.parameters) ResolveType(parameter.type);
        }
        for (Property& property : type.properties) ResolveType(property.type);
        library_.types[index] = std::move(type);
        return index;
    }

    void ResolveType(TypeDescription& type) {
        for (TypeDescription& element : type.element) ResolveType(element);
        if (type.reference) type.reference = Resolve(*type.reference);
    }

    // A name of an importlib'd library is referred to there; any other name of the file is added here.
    TypeReference Resolve(const TypeReference& reference) {
        std::string name = ReferenceName(reference);
        if (name.empty()) return reference;
        for (const ImportedLibrary& imported : file_.importedLibraries) {
            auto found = imported.types.find(name);
            if (found == imported.types.end()) continue;
            return TypeReference::Imported(
                {imported.libraryId, imported.majorVersion, imported.minorVersion, name, found->second});
        }
        if (byName_.count(name)) return TypeReference::Local(Include(name));
        throw std::runtime_error("'" + name + "' is in no imported type library (importlib)");
    }

    const IdlFile& file_;
    std::map<std::string, size_t> byName_;
    std::map<std::string, std::uint32_t> indexes_;
    TypeLibrary library_;
};

}  // namespace

TypeLibrary BuildTypeLibrary(const IdlFile& file) {
    return Builder(file).Build();
}

}  // namespace midl
