#include "../text.h"
#include "messages.h"
#include "procedures.h"

namespace testserver {

Cell ArgumentValue(const sql::Operand& operand, BatchContext& batch) {
  switch (operand.kind) {
    case sql::Operand::Kind::String:
    case sql::Operand::Kind::Column:  // a bare word passes as a string: exec p abc
      return operand.text;
    case sql::Operand::Kind::Number:
      return operand.number;
    case sql::Operand::Kind::Variable:
      if (Variable* variable = batch.Find(operand.text)) {
        return variable->value;
      }
      return Cell{};
    default:
      return Cell{};
  }
}

ProcedureArguments::ProcedureArguments(std::string procedure,
                                       const std::vector<std::string>& parameters,
                                       const sql::ExecStatement& s, BatchContext& batch)
    : m_procedure(std::move(procedure)) {
  for (size_t i = 0; i < s.arguments.size(); ++i) {
    const std::string& name = s.parameterNames[i];
    std::string parameter;
    if (name.empty()) {
      if (i >= parameters.size()) {
        throw SqlError(msg::TooManyArguments(m_procedure));
      }
      parameter = parameters[i];
    } else {
      for (const std::string& p : parameters) {
        if (EqualsNoCase(p, name)) {
          parameter = p;
        }
      }
      if (parameter.empty()) {
        throw SqlError(msg::NotAParameter(name, m_procedure));
      }
    }
    m_values[ToLower(parameter)] = ArgumentValue(s.arguments[i], batch);
  }
}

bool ProcedureArguments::Given(const std::string& parameter) const {
  return m_values.count(ToLower(parameter)) > 0;
}

Cell ProcedureArguments::Required(const std::string& parameter) const {
  auto it = m_values.find(ToLower(parameter));
  if (it == m_values.end()) {
    throw SqlError(msg::ParameterNotSupplied(m_procedure, parameter));
  }
  return it->second;
}

std::string ProcedureArguments::Text(const std::string& parameter,
                                     const std::string& fallback) const {
  auto it = m_values.find(ToLower(parameter));
  if (it == m_values.end() || !it->second) {
    return fallback;
  }
  if (auto* number = std::get_if<int64_t>(&*it->second)) {
    return std::to_string(*number);
  }
  return std::get<std::string>(*it->second);
}

std::optional<int64_t> ProcedureArguments::Number(const std::string& parameter,
                                                  int64_t fallback) const {
  auto it = m_values.find(ToLower(parameter));
  if (it == m_values.end() || !it->second) {
    return fallback;
  }
  if (auto* number = std::get_if<int64_t>(&*it->second)) {
    return *number;
  }
  try {
    size_t used = 0;
    const std::string& text = std::get<std::string>(*it->second);
    int64_t value = std::stoll(text, &used);
    return used == text.size() ? std::optional<int64_t>(value) : std::nullopt;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace testserver
